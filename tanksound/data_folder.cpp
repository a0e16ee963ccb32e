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
        throw std::runtime_error("Datei kann nicht gelesen werden: " + programPath(path) + " (" + reason + ")");
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
        throw std::runtime_error("Ordner kann nicht angelegt werden: " + programPath(path) +
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

// The problem that `step` reports; empty when it went well.
template <typename Step>
std::string problemOf(const Step& step) {
    try {
        step();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// Only under the folder's lock: no other copy is in the middle of a save.
void removeLeftovers(const std::string& folder) {
    removeReplaceLeftovers(folder, false);
    const std::string sounds = resolvePathNoCase(soundFolder(folder, SoundCategory::Engine));
    if (!sounds.empty()) removeReplaceLeftovers(sounds, true);
}

}  // namespace

DataFolderChoice chooseDataFolder(const DataFolderFacts& facts) {
    if (facts.installedSet.empty() && facts.programDirWritable) return {facts.programDir, {}, {}};
    const std::string fillFrom = facts.installedSet.empty() ? facts.programDir : facts.installedSet;
    if (facts.userDataHome.empty()) return {fillFrom, {}, "Das System nennt keinen eigenen Ordner für Sie"};
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
    DataFolder prepared;
    prepared.folder = choice.folder;
    prepared.problem = choice.problem;
    if (prepared.problem.empty())
        prepared.problem = problemOf([&] { makeFolder(nativePath(choice.folder), true); });
    if (prepared.problem.empty()) {
        prepared.lock = file_system::FileLock::take(programPath(nativePath(choice.folder) / LOCK_FILE));
        if (prepared.lock.outcome() == file_system::FileLock::HELD_ELSEWHERE)
            throw std::runtime_error("rumblet läuft bereits mit den Einstellungen in " + choice.folder +
                                     ".\nDieses zweite rumblet wird beendet, damit keines die Änderungen des "
                                     "anderen überschreibt.");
        if (prepared.lock.outcome() == file_system::FileLock::HELD) removeLeftovers(choice.folder);
        if (!choice.fillFrom.empty())
            prepared.problem = problemOf([&] { fillDataFolder(choice.folder, choice.fillFrom); });
    }
    if (prepared.problem.empty()) return prepared;
    // A half-filled folder would start with sounds missing and have the
    // close save a set of empty slots over the settings; this run uses the
    // set the program came with, read-only (it belongs to the system, or is
    // shared by every player), and the next start tries again.
    prepared.folder = choice.fillFrom.empty() ? choice.folder : choice.fillFrom;
    prepared.problem += ". rumblet startet mit dem Soundsatz in " + prepared.folder +
                        "; Änderungen daran werden nicht gespeichert.";
    prepared.readOnly = true;
    return prepared;
}

}  // namespace rumblet
