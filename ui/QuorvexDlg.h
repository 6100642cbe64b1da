// The control panel's one working window: the port selector, Connect/Disconnect and the 23
// command buttons, over the serial engine it owns.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ToolTipCtrl.h"
#include "serial/SerialPort.h"

#include <string>

class CQuorvexDlg : public CDialogEx {
public:
    CQuorvexDlg();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnSysCommand(UINT id, LPARAM position);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    // Port selector
    void OnSearch();
    void RefreshPortList(int count);

    // Connection control
    void OnConnect();
    LRESULT OnPortByte(WPARAM byte, LPARAM port);

    // Command buttons
    void OnCommandButton(UINT controlId);
    void SendCommand(char first, char second);
    void AddButtonTips();

    HICON icon;
    CComboBox portList;
    CToolTipCtrl buttonTips;  // a popup owned by this window: one tool per command button
    CSerialPort serialPort;
    UINT baudRate = 9600;
    wchar_t parity = L'N';
    UINT dataBits = 8;
    UINT stopBits = 1;
    DWORD serialEventMask = EV_RXCHAR | EV_RXFLAG;
};
