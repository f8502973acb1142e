#include "text_check.h"

#include <cerrno>

#include "atomic_file.h"
#include "platform.h"

namespace {

void compare_byte(text_check &check, char expected)
{
    if (check.differing_line != 0 || check.read_error != 0)
        return;
    const int got = std::getc(check.file);
    if (got == EOF && std::ferror(check.file))
        check.read_error = errno != 0 ? errno : EIO;
    else if (got != static_cast<unsigned char>(expected))
        check.differing_line = check.line;
}

void compare_text(void *context, const char *text, std::size_t size)
{
    text_check &check = *static_cast<text_check *>(context);
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == '\n') {
            if (text_lines_end_in_cr)
                compare_byte(check, '\r'); // as a text-mode stream writes it
            compare_byte(check, '\n');
            ++check.line;
        } else {
            compare_byte(check, text[i]);
        }
    }
}

} // namespace

bool start_text_check(text_check &check, const char *path)
{
    check = {open_file_to_read(path), 1, 0, 0};
    return check.file != nullptr;
}

text_sink text_check_sink(text_check &check)
{
    return {compare_text, &check};
}

bool finish_text_check(text_check &check)
{
    if (check.differing_line == 0 && check.read_error == 0) {
        errno = 0;
        if (std::getc(check.file) != EOF)
            check.differing_line = check.line; // the file goes on after the text
        else if (std::ferror(check.file))
            check.read_error = errno != 0 ? errno : EIO;
    }
    std::fclose(check.file);
    check.file = nullptr;
    return check.differing_line == 0 && check.read_error == 0;
}
