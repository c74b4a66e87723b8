// A program without a message queue that never ends by itself: what "-ExitInstances" cannot
// ask and must end (a process of another session looks the same to it).
//   StubbornProcess.exe

#include <windows.h>

int main()
{
    for (;;)
        Sleep(1000);
}
