// The command buttons: each puts its five-byte frame in the engine's write buffer.
#include "DeviceCommands.h"
#include "QuorvexDlg.h"
#include "app/QuorvexApp.h"

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
    serialPort.PlaceFrame(frameTemplate, kFrameLength);
}
