#include "tanksound/data_folder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "programdata/file_system.h"
#include "programdata/program_data.h"
#include "programdata/replace_file.h"
#include "tanksound/settings_file.h"
#include "tanksound/sound_paths.h"

namespace rumblet {

namespace fs = std::filesystem;

namespace {

constexpr const char* FILLED_MARK_TEXT =
    "rumblet copied its sound set and settings into this folder.\n"
    "Delete this file to have the missing ones copied again at the next start.\n";

bool isAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string readWholeFile(const fs::path& path) {
    std::string content, reason;
    if (!file_system::readFile(path.string(), content, reason))
        throw std::runtime_error("Cannot read " + path.string() + " (" + reason + ")");
    return content;
}

// Creates the folder, and with `parents` the folders above it, where missing.
void makeFolder(const fs::path& path, bool parents = false) {
    std::error_code ec;
    if (parents) {
        fs::create_directories(path, ec);
    } else {
        fs::create_directory(path, ec);
    }
    if (ec || !fs::is_directory(path))
        throw std::runtime_error("Cannot create the folder " + path.string() +
                                 (ec ? " (" + ec.message() + ")" : std::string()));
}

// The folder `relative` inside `base`, each component matched without regard
// to letter case and created where missing: a sound set the player copied
// from Windows as DSOUND/SCHUSS is filled, not given a second dsound beside it.
fs::path folderNoCase(const fs::path& base, const fs::path& relative) {
    fs::path at = base;
    for (const fs::path& part : relative) {
        const std::string found = file_system::findEntryNoCase(at.string(), part.string());
        at /= found.empty() ? part : fs::path(found);
        if (found.empty()) makeFolder(at);
    }
    return at;
}

// Copies `source` to `target` unless a file of that name (in any letter
// case) is there already.
void copyIfMissing(const fs::path& source, const fs::path& target) {
    if (!resolvePathNoCase(target.string()).empty()) return;
    replaceFile(target.string(), readWholeFile(source));
}

}  // namespace

std::string userDataFolder(const std::string& xdgDataHome, const std::string& home) {
    if (isAbsolute(xdgDataHome)) return xdgDataHome + "/rumblet";
    if (isAbsolute(home)) return (home == "/" ? "" : home) + "/.local/share/rumblet";
    return {};
}

DataFolderChoice chooseDataFolder(const DataFolderFacts& facts) {
    if (facts.installedSet.empty() && facts.programDirWritable) return {facts.programDir, {}, {}};
    const std::string fillFrom = facts.installedSet.empty() ? facts.programDir : facts.installedSet;
    const std::string user = userDataFolder(facts.xdgDataHome, facts.home);
    if (user.empty()) {
        return {fillFrom, {}, "Neither HOME nor XDG_DATA_HOME names a folder of your own"};
    }
    return {user, fillFrom, {}};
}

void fillDataFolder(const std::string& folder, const std::string& from) {
    makeFolder(folder, true);
    std::error_code ec;
    if (fs::equivalent(folder, from, ec) || fs::exists(fs::path(folder) / FILLED_MARK)) return;

    // IR.ini first: should the sounds fail, the settings already name them,
    // and the close does not save a set of empty slots over them.
    const std::string settings = resolvePathNoCase(settingsPath(from));
    if (!settings.empty()) copyIfMissing(settings, settingsPath(folder));

    const std::string sounds = resolvePathNoCase(soundFolder(from, SoundCategory::Engine));
    if (!sounds.empty() && fs::is_directory(sounds)) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sounds)) {
            if (!entry.is_regular_file()) continue;
            const fs::path relative = fs::relative(entry.path(), sounds);
            const fs::path target = folderNoCase(folder, fs::path("dsound") / relative.parent_path());
            copyIfMissing(entry.path(), target / relative.filename());
        }
    }
    replaceFile((fs::path(folder) / FILLED_MARK).string(), FILLED_MARK_TEXT);
}

DataFolder prepareDataFolder(const std::string& programDir, const std::string& installedSetRelative) {
    DataFolderFacts facts;
    facts.programDir = programDir;
    facts.programDirWritable = file_system::isWritableFolder(programDir);
    const std::string installed = programDir + "/" + installedSetRelative;
    std::error_code ec;
    if (!installedSetRelative.empty() && fs::is_directory(installed + "/dsound", ec))
        facts.installedSet = fs::weakly_canonical(installed, ec).string();
    if (const char* v = std::getenv("XDG_DATA_HOME")) facts.xdgDataHome = v;
    if (const char* v = std::getenv("HOME")) facts.home = v;

    const DataFolderChoice choice = chooseDataFolder(facts);
    std::string problem = choice.problem;
    if (problem.empty() && !choice.fillFrom.empty()) {
        try {
            fillDataFolder(choice.folder, choice.fillFrom);
        } catch (const std::exception& e) {
            problem = e.what();
        }
    }
    if (problem.empty()) return {choice.folder, {}};
    // A half-filled folder would start with sounds missing and have the
    // close save a set of empty slots over the settings; this run uses the
    // set the program came with, and the next start tries again.
    const std::string fallback = choice.fillFrom.empty() ? choice.folder : choice.fillFrom;
    return {fallback, problem + ". rumblet starts with the sound set in " + fallback +
                          "; changes to it cannot be saved."};
}

}  // namespace rumblet
