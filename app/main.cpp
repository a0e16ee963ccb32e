// rumblet: the program's entry. Builds the program-wide data over the data
// folder (tanksound/data_folder.h), binds the port library from the
// program's folder or the system's, sets up both windows over their
// toolkit-free logic and runs the main window's load handler; from then on
// everything happens in the window system's event loop on this one thread.
// --help and --version are answered first, without a display; every other
// argument is Qt's (-platform, -display, -style, ...).
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/bound_port.h"
#include "app/command_line.h"
#include "app/dynamic_library.h"
#include "app/engine_sound_actions.h"
#include "app/mainform.h"
#include "programdata/program_data.h"
#include "sound/sound_output.h"
#include "tanksound/data_folder.h"
#include "window/qt/control_binding.h"
#include "app/qt/main_window.h"
#include "window/qt/message_box.h"
#include "window/qt/open_application.h"
#include "app/qt/qt_window_services.h"
#include "app/main_form_link.h"
#include "editor/qt/soundedit_dialog.h"
#include "editor/soundedit.h"

int main(int argc, char** argv) {
    using namespace rumblet;
    const std::string usage =
        std::string(RUMBLET_USAGE) + "Andere Argumente gehen an Qt, z. B. -platform NAME oder -display ANZEIGE.\n";
    if (const auto answer = helpOrVersion({argv + 1, argv + argc}, "rumblet", usage)) {
        std::cout << *answer;
        return 0;
    }
    const auto application = qtskin::openApplication(argc, argv, "rumblet");
    if (!application) return 1;
    try {
        ProgramData data;
        // This platform's sound output; soundinit opens it in the load handler.
        data.directx = makeDefaultSoundSystem();
        const DataFolder folder = prepareDataFolder(programFolder(), RUMBLET_INSTALLED_SET);
        data.programDir = folder.folder;
        data.readOnlyFolder = folder.readOnly;
        if (!folder.problem.empty()) qtskin::showMessage(folder.problem);
        BoundPortLibrary port;
        EngineSoundActions sounds(data);

        std::optional<qtskin::MainWindow> mainWindow;
        std::optional<Soundedit> editor;
        qtskin::QtWindowServices window([&] {
            qtskin::SoundeditDialog dialog(*editor, &*mainWindow);
            dialog.showModal();
        });
        // The standard run-time error of a handler: its message, then the end.
        qtskin::setRuntimeErrorHandler([&window](const std::exception& e) { window.runtimeError(e); });

        MainForm form(data, port, sounds, window);
        mainWindow.emplace(form);
        window.setMainWindow(&*mainWindow);
        qtskin::closeOnEndRequests(*mainWindow);
        MainFormLink owner(form, sounds, window);
        qtskin::QtSoundeditSystem system([&form] { form.restartMillisecondStopwatch(); });
        editor.emplace(data, owner, system);

        qtskin::runUserAction([&form] { form.Form_Load(); });
        return application->exec();
    } catch (const std::exception& e) {
        qtskin::showMessage(e.what());
        return 1;
    }
}
