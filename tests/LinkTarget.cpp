// Started by the shell when a test clicks a link: appends one line to
// "clicks.txt" beside this program, so the test can count the launches.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return 1;
    char* slash = strrchr(path, '\\');
    if (!slash || size_t(slash - path) + sizeof "\\clicks.txt" > MAX_PATH)
        return 1;
    strcpy(slash, "\\clicks.txt");
    FILE* file = fopen(path, "a");
    if (!file)
        return 1;
    fputs("open\n", file);
    fclose(file);
    return 0;
}
