// What the Windows tests need of Windows itself, run under Wine beside the
// tool:
//   windows_helper short-name PATH
//       prints the short (8.3) name of PATH's last component, which exists;
//   windows_helper hold PATH PROGRAM [ARGUMENT...]
//       opens PATH with no sharing at all, as an editor or a virus scanner
//       may, runs PROGRAM with the arguments while it holds it, and exits
//       with PROGRAM's status;
//   windows_helper lone-surrogates PROGRAM
//       runs PROGRAM, through CreateProcessW, with a source and a header
//       named with lone surrogates: --output=t<D800>.c --header=t<DBFF>.h 16.

#include <cstdio>
#include <cwchar>
#include <process.h>
#include <windows.h>

namespace {

int short_name(const wchar_t *path)
{
    static wchar_t name[32768];
    const DWORD length = GetShortPathNameW(path, name, 32768);
    if (length == 0 || length >= 32768) {
        std::fprintf(stderr, "GetShortPathNameW failed: %lu\n", GetLastError());
        return 2;
    }
    const wchar_t *last = name;
    for (const wchar_t *c = name; *c != L'\0'; ++c)
        if (*c == L'\\' || *c == L'/')
            last = c + 1;
    static char utf8[32768 * 3];
    WideCharToMultiByte(CP_UTF8, 0, last, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%s\n", utf8);
    return 0;
}

int hold(const wchar_t *path, wchar_t *command[])
{
    const HANDLE held = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot hold the file: %lu\n", GetLastError());
        return 2;
    }
    std::fflush(stdout);
    const intptr_t status = _wspawnv(_P_WAIT, command[0], command);
    CloseHandle(held);
    if (status < 0) {
        std::fprintf(stderr, "cannot run the program\n");
        return 2;
    }
    return static_cast<int>(status);
}

int lone_surrogates(wchar_t *program)
{
    wchar_t output[] = {L'-', L'-', L'o', L'u', L't', L'p', L'u', L't', L'=', L't', 0xD800, L'.', L'c', 0};
    wchar_t header[] = {L'-', L'-', L'h', L'e', L'a', L'd', L'e', L'r', L'=', L't', 0xDBFF, L'.', L'h', 0};
    wchar_t size[] = L"16";
    wchar_t *command[] = {program, output, header, size, nullptr};
    std::fflush(stdout);
    const intptr_t status = _wspawnv(_P_WAIT, program, command);
    return status < 0 ? 2 : static_cast<int>(status);
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    if (argc == 3 && std::wcscmp(argv[1], L"short-name") == 0)
        return short_name(argv[2]);
    if (argc >= 4 && std::wcscmp(argv[1], L"hold") == 0)
        return hold(argv[2], argv + 3);
    if (argc == 3 && std::wcscmp(argv[1], L"lone-surrogates") == 0)
        return lone_surrogates(argv[2]);
    std::fputs("usage: windows_helper short-name PATH | hold PATH PROGRAM [ARGUMENT...] |"
               " lone-surrogates PROGRAM\n",
               stderr);
    return 2;
}
