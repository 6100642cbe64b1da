#include "QuorvexDlg.h"

#include "AboutDlg.h"
#include "DeviceCommands.h"
#include "app/QuorvexApp.h"
#include "framework/Dc.h"
#include "framework/Rect.h"
#include "serial/PortMessages.h"

#include <string>

namespace {

// The command's meaning as the first words of a sentence: "quad split" shows as "Quad split".
std::wstring SentenceCase(const char* meaning) {
    std::wstring text(meaning, meaning + std::char_traits<char>::length(meaning));
    if (!text.empty() && text[0] >= L'a' && text[0] <= L'z')
        text[0] = static_cast<wchar_t>(text[0] - L'a' + L'A');
    return text;
}

}  // namespace

CQuorvexDlg::CQuorvexDlg() : CDialogEx(IDD_QUORVEX_DIALOG), icon(AfxGetApp()->LoadIconW(IDR_MAINFRAME)) {}

const MessageMap& CQuorvexDlg::GetMessageMap() const {
    static const MessageMap map(&CDialogEx::GetMessageMap(),
                                {
                                    OnMessage(WM_SYSCOMMAND, &CQuorvexDlg::OnSysCommand),
                                    OnMessage(WM_PAINT, &CQuorvexDlg::OnPaint),
                                    OnMessage(WM_QUERYDRAGICON, &CQuorvexDlg::OnQueryDragIcon),
                                    OnMessage(WM_PORT_BYTE, &CQuorvexDlg::OnPortByte),
                                    OnClicked(IDC_SEARCH, &CQuorvexDlg::OnSearch),
                                    OnClicked(IDC_CONNECT, &CQuorvexDlg::OnConnect),
                                    OnClickedRange(IDC_SINGLE_1, IDC_STANDBY, &CQuorvexDlg::OnCommandButton),
                                });
    return map;
}

void CQuorvexDlg::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_PORT_LIST, portList);
}

BOOL CQuorvexDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(FALSE)) {
        wchar_t aboutText[128] = {};
        if (::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, aboutText, 128) > 0) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }

    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);

    GetDlgItem(IDC_CONNECT).EnableWindow(FALSE);  // until the first Search

    // Icons stay loaded for the life of the process, as shared icons from LoadIcon do.
    for (const DeviceCommand& command : kDeviceCommands) {
        HICON buttonIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(command.iconId));
        GetDlgItem(static_cast<int>(command.controlId))
            .SendMessageW(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(buttonIcon));
    }
    AddButtonTips();
    return TRUE;
}

// The buttons show only icons: each one's tip names it by its caption, then says what it does.
void CQuorvexDlg::AddButtonTips() {
    if (!buttonTips.Create(m_hWnd, TTS_ALWAYSTIP | TTS_NOPREFIX))
        return;
    CRect client;
    GetClientRect(&client);
    buttonTips.SetMaxTipWidth(client.Width());  // lets the tip break at its line feed
    for (const DeviceCommand& command : kDeviceCommands) {
        const CWindow button = GetDlgItem(static_cast<int>(command.controlId));
        const std::wstring tip = button.GetWindowTextW() + L"\n" + SentenceCase(command.meaning);
        buttonTips.SetToolText(button, tip.c_str(), TTF_SUBCLASS);
    }
}

void CQuorvexDlg::OnSysCommand(UINT id, LPARAM position) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        DefWindowProcW(WM_SYSCOMMAND, id, position);
    }
}

void CQuorvexDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessageW(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    CRect client;
    GetClientRect(&client);
    dc.DrawIcon((client.Width() - iconWidth + 1) / 2, (client.Height() - iconHeight + 1) / 2, icon);
}

HCURSOR CQuorvexDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(icon); }
