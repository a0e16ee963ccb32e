#include "tanksound/data_folder.h"

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

using file_system::nativePath;
using file_system::programPath;

std::string readWholeFile(const fs::path& path) {
    std::string content, reason;
    if (!file_system::readFile(programPath(path), content, reason))
        throw std::runtime_error("Cannot read " + programPath(path) + " (" + reason + ")");
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
        throw std::runtime_error("Cannot create the folder " + programPath(path) +
                                 (ec ? " (" + ec.message() + ")" : std::string()));
}

// The folder `relative` inside `base`, each component matched without regard
// to letter case and created where missing: a sound set the player copied
// from Windows as DSOUND/SCHUSS is filled, not given a second dsound beside it.
fs::path folderNoCase(const fs::path& base, const fs::path& relative) {
    fs::path at = base;
    for (const fs::path& part : relative) {
        const std::string found = file_system::findEntryNoCase(programPath(at), programPath(part));
        at /= found.empty() ? part : nativePath(found);
        if (found.empty()) makeFolder(at);
    }
    return at;
}

// Copies `source` to `target` unless a file of that name (in any letter
// case) is there already.
void copyIfMissing(const fs::path& source, const fs::path& target) {
    if (!resolvePathNoCase(programPath(target)).empty()) return;
    replaceFile(programPath(target), readWholeFile(source));
}

}  // namespace

DataFolderChoice chooseDataFolder(const DataFolderFacts& facts) {
    if (facts.installedSet.empty() && facts.programDirWritable) return {facts.programDir, {}, {}};
    const std::string fillFrom = facts.installedSet.empty() ? facts.programDir : facts.installedSet;
    if (facts.userDataHome.empty()) return {fillFrom, {}, "The system names no folder of your own"};
    return {programPath(nativePath(facts.userDataHome) / "rumblet"), fillFrom, {}};
}

void fillDataFolder(const std::string& folder, const std::string& from) {
    makeFolder(nativePath(folder), true);
    std::error_code ec;
    if (fs::equivalent(nativePath(folder), nativePath(from), ec) || fs::exists(nativePath(folder) / FILLED_MARK))
        return;

    // IR.ini first: should the sounds fail, the settings already name them,
    // and the close does not save a set of empty slots over them.
    const std::string settings = resolvePathNoCase(settingsPath(from));
    if (!settings.empty()) copyIfMissing(settings, settingsPath(folder));

    const std::string sounds = resolvePathNoCase(soundFolder(from, SoundCategory::Engine));
    if (!sounds.empty() && fs::is_directory(nativePath(sounds))) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(nativePath(sounds))) {
            if (!entry.is_regular_file()) continue;
            const fs::path relative = fs::relative(entry.path(), nativePath(sounds));
            const fs::path target = folderNoCase(nativePath(folder), fs::path("dsound") / relative.parent_path());
            copyIfMissing(entry.path(), target / relative.filename());
        }
    }
    replaceFile(programPath(nativePath(folder) / FILLED_MARK), FILLED_MARK_TEXT);
}

DataFolder prepareDataFolder(const std::string& programDir, const std::string& installedSetRelative) {
    DataFolderFacts facts;
    facts.programDir = programDir;
    facts.programDirWritable = file_system::isWritableFolder(programDir);
    const fs::path installed = nativePath(programDir) / nativePath(installedSetRelative);
    std::error_code ec;
    if (!installedSetRelative.empty() && fs::is_directory(installed / "dsound", ec) &&
        !fs::equivalent(installed, nativePath(programDir), ec))
        facts.installedSet = programPath(fs::weakly_canonical(installed, ec));
    facts.userDataHome = file_system::userDataHome();
    return prepareDataFolder(facts);
}

DataFolder prepareDataFolder(const DataFolderFacts& facts) {
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
