// demo_session: the scripted session of `make run` without a display. Starts the shipped control
// panel, finds and connects the simulator's port, presses a few commands, each one only after
// the simulator has logged the one before, takes pictures of the main window, a button's tip and
// the About box, disconnects and closes the panel.
//   demo_session.exe QUORVEX_EXE PORT SIMULATOR_LOG OUTPUT_FOLDER
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Panel.h"
#include "PaintedPicture.h"
#include "Wait.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "tools/menu_demo/ScreenShot.h"
#include "res/resource.h"
#include "ui/DeviceCommands.h"

namespace {

constexpr DWORD kFrameTimeoutMs = 5000;
constexpr DWORD kShowTimeoutMs = 10000;
constexpr DWORD kPaintTimeoutMs = 10000;

// Frames the simulator has logged so far: every frame line shows its bytes from the "G" on.
int FramesLogged(const std::wstring& logPath) {
    FILE* file = _wfopen(logPath.c_str(), L"rb");
    if (!file)
        return 0;
    std::string text;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, got);
    std::fclose(file);
    int frames = 0;
    for (size_t at = text.find("  [47 "); at != std::string::npos; at = text.find("  [47 ", at + 1))
        ++frames;
    return frames;
}

class Session {
public:
    Session(const std::wstring& exe, std::wstring logPath, std::wstring outputFolder)
        : panel_(exe), logPath_(std::move(logPath)), output_(std::move(outputFolder)) {}

    bool Started() const { return panel_.Window() != nullptr; }

    // Wine draws the caption buttons as Marlett's letters: where the prefix lacks that font,
    // another one stands in and every picture's close box shows an "r".
    static bool MarlettInstalled() {
        LOGFONTW wanted{};
        wanted.lfHeight = -13;
        wanted.lfCharSet = SYMBOL_CHARSET;
        lstrcpyW(wanted.lfFaceName, L"Marlett");
        CFont font;
        font.CreateFontIndirect(&wanted);
        CClientDC screen(nullptr);
        SelectedObject selected(screen, font);
        wchar_t face[LF_FACESIZE] = {};
        ::GetTextFaceW(screen.m_hDC, LF_FACESIZE, face);
        return lstrcmpW(face, L"Marlett") == 0 ||
               Fail("the prefix has no Marlett font, so the close boxes would show an \"r\" (found " + Narrow(face) +
                    ")");
    }

    bool Connect(const std::wstring& port) {
        panel_.Click(IDC_SEARCH);
        std::wstring found;
        for (const std::wstring& entry : panel_.PortListEntries())
            found += L" " + entry;
        Say("Search found" + Narrow(found));
        panel_.SelectPort(port);
        panel_.Click(IDC_CONNECT);
        if (panel_.Text(IDC_CONNECT) != L"Disconnect")
            return Fail("Connect did not open " + Narrow(port) + "; the button says " +
                        Narrow(panel_.Text(IDC_CONNECT)));
        Say("connected");
        return true;
    }

    // Presses the button of this command and waits until its frame reached the simulator.
    bool Press(const char* meaning) {
        const DeviceCommand* command = FindByMeaning(meaning);
        const int before = FramesLogged(logPath_);
        panel_.Click(static_cast<int>(command->controlId));
        if (!WaitUntil([&] { return FramesLogged(logPath_) > before; }, kFrameTimeoutMs))
            return Fail(std::string("the simulator did not get: ") + meaning);
        return true;
    }

    bool ShootMainWindow() { return Shoot(panel_.Window(), L"main-window", nullptr); }

    // Rests the pointer on the quad split button until its tip shows, takes the window with the
    // tip, then moves the pointer off the buttons so the tip is gone for the pictures after it.
    bool ShootButtonTip() {
        HWND window = panel_.Window();
        HWND tip = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
        while (tip && ::GetWindow(tip, GW_OWNER) != window)
            tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr);
        if (!tip)
            return Fail("the main window has no tooltip");
        const auto movePointer = [](LONG x, LONG y) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dx = ::MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
            input.mi.dy = ::MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
            input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            ::SendInput(1, &input, sizeof(input));
        };
        RECT button{};
        ::GetWindowRect(panel_.Control(static_cast<int>(FindByMeaning("quad split")->controlId)), &button);
        movePointer((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        if (!WaitUntil([&] { return ::IsWindowVisible(tip) != FALSE; }))
            return Fail("no tip showed over the quad split button");
        for (HWND shown : {window, tip})
            ::RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        ::GdiFlush();
        RECT frame{};
        RECT tipFrame{};
        ::GetWindowRect(window, &frame);
        ::GetWindowRect(tip, &tipFrame);
        ::UnionRect(&frame, &frame, &tipFrame);
        if (!SaveScreenArea(frame, output_ + L"\\tooltip.bmp") || !NotePictureSize("tooltip", frame))
            return Fail("could not save a screenshot");
        POINT clear{4, 4};  // a spot of the dialog no control covers
        ::ClientToScreen(window, &clear);
        movePointer(clear.x, clear.y);
        return WaitUntil([&] { return !::IsWindowVisible(tip); }) || Fail("the tip stayed after the pointer left");
    }

    bool ShootAboutBox() {
        // What the screen shows before the About box opens: its picture must differ from this.
        const std::vector<DWORD> before = ScreenPixels(ScreenArea());
        ::PostMessageW(panel_.Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = nullptr;
        WaitUntil([&] { return (about = panel_.FindWindowByCaption(L"关于 Quorvex")) != nullptr; }, kShowTimeoutMs);
        if (!about)
            return Fail("the About box did not open");
        const bool saved = Shoot(about, L"about-box", &before);
        ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        WaitUntil([&] { return !::IsWindow(about); });
        return saved;
    }

    bool DisconnectAndClose() {
        panel_.Click(IDC_CONNECT);
        if (panel_.Text(IDC_CONNECT) != L"connect")
            return Fail("Disconnect did not free the port");
        Say("disconnected");
        ::PostMessageW(panel_.Window(), WM_CLOSE, 0, 0);
        return panel_.WaitForExit(10000) || Fail("the panel did not close");
    }

private:
    static const DeviceCommand* FindByMeaning(const char* meaning) {
        for (const DeviceCommand& command : kDeviceCommands)
            if (std::string(command.meaning) == meaning)
                return &command;
        return nullptr;
    }

    // Saves NAME.bmp once the window is on top, painted and still, and notes its size in
    // pictures.txt. With `covered`, the screen before the window opened: a picture that still
    // shows that under the window is not the window's.
    bool Shoot(HWND window, const wchar_t* name, const std::vector<DWORD>* covered) {
        const std::string what = Narrow(name);
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kShowTimeoutMs, &answer))
            return Fail(what + ": the window does not answer");
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        RECT frame{};
        ::GetWindowRect(window, &frame);
        PaintedPicture picture(window, frame, covered ? Cropped(*covered, ScreenArea(), frame) : std::vector<DWORD>{});
        if (!WaitUntil([&] { return picture.Settled(); }, kPaintTimeoutMs))
            return Fail(what + ": " + picture.Trouble());
        if (!SaveScreenArea(frame, output_ + L"\\" + name + L".bmp"))
            return Fail(what + ": could not save the picture");
        return NotePictureSize(what, frame);
    }

    bool NotePictureSize(const std::string& name, const RECT& frame) const {
        FILE* list = _wfopen((output_ + L"\\pictures.txt").c_str(), L"ab");
        if (!list)
            return Fail("could not write pictures.txt");
        std::fprintf(list, "%s %ldx%ld\n", name.c_str(), frame.right - frame.left, frame.bottom - frame.top);
        std::fclose(list);
        return true;
    }

    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    static void Say(const std::string& text) {
        std::printf("demo: %s\n", text.c_str());
        std::fflush(stdout);
    }
    static bool Fail(const std::string& text) {
        Say("FAILED: " + text);
        return false;
    }

    PanelProcess panel_;
    std::wstring logPath_;
    std::wstring output_;
};

constexpr const char* kLayoutsAndAudio[] = {
    "quad split",         "single screen, input 2",        "\"H\" layout", "one large (input 3), three small",
    "audio from input 2", "two-way split, inputs 3 and 4",
};

bool Run(Session& session, const std::wstring& port) {
    if (!Session::MarlettInstalled() || !session.Started() || !session.Connect(port))
        return false;
    for (const char* meaning : kLayoutsAndAudio)
        if (!session.Press(meaning))
            return false;
    if (!session.ShootMainWindow() || !session.ShootButtonTip() || !session.Press("mute") || !session.Press("standby"))
        return false;
    return session.ShootAboutBox() && session.Press("standby") && session.DisconnectAndClose();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: demo_session QUORVEX_EXE PORT SIMULATOR_LOG OUTPUT_FOLDER\n");
        return 2;
    }
    Session session(argv[1], argv[3], argv[4]);
    return Run(session, argv[2]) ? 0 : 1;
}
