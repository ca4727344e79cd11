#include <cwchar>
#include <windows.h>

// Plays the host program reading the weather file: opens it without letting anyone delete or
// replace it, says "held" on standard output, keeps it open for the given milliseconds, then
// closes it and says "released".
//   HoldFile.exe PATH MILLISECONDS
int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteFile(output, "held\n", 5, &written, nullptr);
    Sleep(DWORD(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    WriteFile(output, "released\n", 9, &written, nullptr);
    return 0;
}
