#include "window/qt/open_application.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rumblet::qtskin {
namespace {

constexpr const char* DISPLAY_VARIABLES[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"};
constexpr const char* DISPLAY_ARGUMENTS[] = {"-platform", "--platform", "-display", "--display"};

void sayNoDisplay(const char* program, const std::string& why) {
    std::fprintf(stderr, "%s: kein Bildschirm (%s).\n", program, why.c_str());
    std::fflush(stderr);
}

// What the message handler needs while Qt opens its platform; a handler
// is a plain function, so these live here for that one call.
const char* openingProgram = "";
std::string namedDisplay;
QtMessageHandler previousHandler = nullptr;

// Qt's warnings pass as ever (they name the cause: the display that does not
// answer, a library a platform plugin lacks); its fatal message, that no
// platform could be opened, becomes the program's line and a plain end
// instead of an abort.
void duringOpening(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        previousHandler(type, context, text);
        return;
    }
    sayNoDisplay(openingProgram, "keine Verbindung mit " + namedDisplay);
    std::_Exit(1);
}

}  // namespace

std::string missingDisplay(int argc, char** argv) {
    for (const char* name : DISPLAY_VARIABLES)
        if (!qEnvironmentVariableIsEmpty(name)) return {};
    for (int i = 1; i < argc; ++i)
        for (const char* option : DISPLAY_ARGUMENTS)
            if (std::strcmp(argv[i], option) == 0) return {};
    return "weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt";
}

std::unique_ptr<QApplication> openApplication(int& argc, char** argv, const char* program) {
    if (const std::string why = missingDisplay(argc, argv); !why.empty()) {
        sayNoDisplay(program, why);
        return nullptr;
    }
    openingProgram = program;
    // What the player named, for the line; Qt takes its arguments out of argv.
    namedDisplay.clear();
    const auto name = [](const std::string& what) { namedDisplay += (namedDisplay.empty() ? "" : ", ") + what; };
    for (const char* variable : DISPLAY_VARIABLES)
        if (!qEnvironmentVariableIsEmpty(variable)) name(std::string(variable) + "=" + qgetenv(variable).toStdString());
    for (int i = 1; i + 1 < argc; ++i)
        for (const char* option : DISPLAY_ARGUMENTS)
            if (std::strcmp(argv[i], option) == 0) name(std::string(option) + " " + argv[i + 1]);
    previousHandler = qInstallMessageHandler(duringOpening);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previousHandler);
    return application;
}

}  // namespace rumblet::qtskin
