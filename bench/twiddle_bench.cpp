#include "source_writer.h"
#include "twiddle_table.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
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

// Writes into memory, so that the figure is the formatting alone.
void BM_write_twiddle_source(benchmark::State &state)
{
    const auto n = static_cast<std::int32_t>(state.range(0));
    std::vector<std::int16_t> table(static_cast<std::size_t>(n));
    make_twiddle_table(table.data(), n, default_scale);

    const table_request request = {n,       default_scale, "w",     alignment_style::ti,
                                   nullptr, nullptr,       nullptr, no_bank,
                                   false,   rounding_rule::toward_zero, false};
    std::vector<char> sink(512 * 1024);
    std::FILE *out = fmemopen(sink.data(), sink.size(), "w");
    if (out == nullptr) {
        state.SkipWithError("fmemopen failed");
        return;
    }
    for (auto _ : state) {
        std::rewind(out);
        write_twiddle_source(out, table.data(), request);
        std::fflush(out);
    }
    state.SetBytesProcessed(state.iterations() * std::ftell(out));
    std::fclose(out);
}
BENCHMARK(BM_write_twiddle_source)->Arg(16)->Arg(1024)->Arg(32768);

} // namespace
