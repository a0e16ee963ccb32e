// rumblet on Windows: the program's entry. The same steps as on Linux
// (app/main.cpp): the program-wide data over the data folder, the port
// library bound from the program's folder, both windows over their
// toolkit-free logic, the main window's load handler; from then on
// everything happens in the message loop on this one thread.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/bound_port.h"
#include "app/command_line.h"
#include "app/dynamic_library.h"
#include "app/engine_sound_actions.h"
#include "app/main_form_link.h"
#include "app/mainform.h"
#include "app/win32/main_window.h"
#include "app/win32/win32_window_services.h"
#include "editor/soundedit.h"
#include "editor/win32/soundedit_window.h"
#include "programdata/program_data.h"
#include "sound/sound_output.h"
#include "sound/win32/utf8_win32.h"
#include "tanksound/data_folder.h"
#include "window/user_action.h"
#include "window/win32/message_loop.h"

namespace {

// The program's arguments after its own name, as UTF-8.
std::vector<std::string> commandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) arguments.push_back(rumblet::utf8FromWide(wide[i]));
        LocalFree(wide);
    }
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace rumblet;
    using namespace rumblet::win32skin;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // A windowed program has no console to print on: --help and --version
    // answer in the program's message box. Other arguments are ignored.
    if (const auto answer = helpOrVersion(commandLineArguments(), "rumblet", RUMBLET_USAGE)) {
        showMessage(*answer);
        return 0;
    }
    try {
        ProgramData data;
        // This platform's sound output; soundinit opens it in the load handler.
        data.directx = makeDefaultSoundSystem();
        const DataFolder folder = prepareDataFolder(programFolder(), RUMBLET_INSTALLED_SET);
        data.programDir = folder.folder;
        data.readOnlyFolder = folder.readOnly;
        if (!folder.problem.empty()) showMessage(folder.problem);
        BoundPortLibrary port;
        EngineSoundActions sounds(data);

        std::optional<MainWindow> mainWindow;
        std::optional<Soundedit> editor;
        Win32WindowServices window([&] {
            SoundeditWindow dialog(*editor, mainWindow->hwnd());
            dialog.showModal();
        });
        // The standard run-time error of a handler: its message, then the end.
        setRuntimeErrorHandler([&window](const std::exception& e) { window.runtimeError(e); });

        MainForm form(data, port, sounds, window);
        mainWindow.emplace(form);
        window.setMainWindow(&*mainWindow);
        MainFormLink owner(form, sounds, window);
        Win32SoundeditSystem system([&form] { form.restartMillisecondStopwatch(); });
        editor.emplace(data, owner, system);

        runUserAction([&form] { form.Form_Load(); });
        return runMessageLoop();
    } catch (const std::exception& e) {
        showMessage(e.what());
        return 1;
    }
}
