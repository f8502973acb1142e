#include "source_writer.h"
#include "table_layout.h"
#include "twiddle_table.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double default_scale = 32767.5;

void BM_make_twiddle_table(benchmark::State &state)
{
    const auto n = static_cast<std::int32_t>(state.range(0));
    std::vector<std::int16_t> table(static_cast<std::size_t>(n));
    for (auto _ : state) {
        make_twiddle_table(table.data(), n, default_scale);
        benchmark::DoNotOptimize(table.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_make_twiddle_table)->Arg(16)->Arg(1024)->Arg(32768);

table_request request_for(const char *layout, std::int32_t n)
{
    table_request request{};
    request.layout = find_layout(layout);
    request.type = sample_type::q15;
    request.points = n;
    request.scale = default_scale;
    request.array_name = "w";
    request.alignment = request.layout->default_alignment;
    request.bank = no_bank;
    request.rounding = rounding_rule::toward_zero;
    return request;
}

// A table written into memory, as a run writes it: the layout is the first
// argument (0 for radix2, 1 for cmsis-cfft, 2 for cmsis-rfft), the size the
// second. Where the third is 0 the table is described, reserved and computed
// too, each time; where it is 1, only written.
void BM_table(benchmark::State &state)
{
    const table_request request =
        request_for(table_layouts[state.range(0)]->name, static_cast<std::int32_t>(state.range(1)));
    const bool writing_alone = state.range(2) == 1;
    static table_description description;
    std::vector<char> sink(1024 * 1024);
    std::FILE *out = fmemopen(sink.data(), sink.size(), "w");
    if (out == nullptr) {
        state.SkipWithError("fmemopen failed");
        return;
    }
    const auto make = [&] {
        describe_table(request, description);
        void *const values = reserve_values(description);
        fill_table(request, description);
        return values;
    };
    void *values = writing_alone ? make() : nullptr;
    for (auto _ : state) {
        std::rewind(out);
        if (!writing_alone)
            values = make();
        write_twiddle_source(stream_sink(out), description, request);
        std::fflush(out);
        if (!writing_alone)
            std::free(values);
    }
    if (writing_alone)
        std::free(values);
    state.SetBytesProcessed(state.iterations() * std::ftell(out));
    std::fclose(out);
}
// The radix-2 table's writing alone, at three sizes; then each layout whole.
BENCHMARK(BM_table)
    ->Args({0, 16, 1})
    ->Args({0, 1024, 1})
    ->Args({0, 32768, 1})
    ->Args({0, 8192, 0})
    ->Args({2, 8192, 0})
    ->Args({2, 8192, 1})
    ->Args({1, 4096, 0});

} // namespace
