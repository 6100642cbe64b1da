// The entry point: hands the process to the one application object.
#include "App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_nThreadID = ::GetCurrentThreadId();
    app->MakeCurrent();
    if (!app->InitApplication() || !app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
