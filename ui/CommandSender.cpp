// The command buttons: each puts its five-byte frame in the engine's write buffer.
#include "DeviceCommands.h"
#include "QuorvexDlg.h"
#include "app/QuorvexApp.h"

#include <cstring>

namespace {

// Always holds the most recent command.
BYTE frameTemplate[kFrameLength] = {kFrameStart, 0, 0, kFrameEnd, kFrameTerminator};

}  // namespace

void CQuorvexDlg::OnCommandButton(UINT controlId) {
    if (const DeviceCommand* command = FindCommandByControl(controlId))
        SendCommand(command->code[0], command->code[1]);
}

void CQuorvexDlg::SendCommand(char first, char second) {
    if (!theApp.portOpen) {
        AfxMessageBox(L"Opening COM failed!", MB_OK);
        return;
    }
    frameTemplate[1] = static_cast<BYTE>(first);
    frameTemplate[2] = static_cast<BYTE>(second);
    {
        // The worker writes from this buffer under the same lock: a frame is never rewritten
        // while it goes out. A frame the worker has not taken yet is simply replaced.
        ScopedLock<CCriticalSection> lock(serialPort.ioLock);
        std::memcpy(serialPort.writeBuffer.get(), frameTemplate, kFrameLength);
        serialPort.writeLength = kFrameLength;
    }
    ::SetEvent(serialPort.writeEvent.get());
}
