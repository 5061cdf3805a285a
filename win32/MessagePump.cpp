#include "win32/MessagePump.h"

bool PumpMessages(const std::function<bool(MSG&)>& takeKeys)
{
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (takeKeys && takeKeys(message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

void PumpingWaiter::Wait(int ms)
{
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms > 0 ? ms : 0);
    bool handling = true;
    for (;;) {
        handling = handling && pump && pump();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return;
        const auto left = static_cast<DWORD>(end - now);
        if (handling)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
        else
            ::Sleep(left);
    }
}
