#include "ProbeProcess.h"

#include <windows.h>

#include "framework/Handle.h"

std::wstring SiblingProgram(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + fileName;
}

std::string RunAndCapture(const std::wstring& program, unsigned timeoutMs) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return {};
    CHandle reader(readEnd);
    CHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info))
        return {};
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    writer.Close();  // the pipe ends when the child's copy closes

    std::string output;
    const DWORD deadline = ::GetTickCount() + timeoutMs;
    for (;;) {
        DWORD waiting = 0;
        if (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
            char buffer[256];
            DWORD got = 0;
            if (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
                output.append(buffer, got);
            continue;
        }
        if (::WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0) {
            DWORD got = 0;
            char buffer[256];
            while (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
                   ::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
                output.append(buffer, got);
            return output;
        }
        if (static_cast<LONG>(::GetTickCount() - deadline) >= 0) {
            ::TerminateProcess(info.hProcess, 1);
            ::WaitForSingleObject(info.hProcess, 5000);
            return {};
        }
    }
}
