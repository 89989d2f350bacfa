#pragma once
// The new-project dialog's checks and folder creation, and what the main window does with a
// confirmed dialog: an empty project with the chosen tracks and rate.
#include <array>
#include <cstddef>
#include <string>

#include "platform/user_dialogs.h"

namespace tqx {

class Studio;

inline constexpr std::array<int, 8> kTrackCountChoices{8, 16, 24, 32, 48, 64, 96, 128};
inline constexpr std::array<int, 6> kSampleRateChoices{4000, 8000, 11025, 22050, 44100, 48000};

// The tracks and rate of a new project, as indices of the two tables above.
struct NewProjectChoice {
    int trackCountIndex = 0;  // 8 tracks
    int rateIndex = 4;        // 44,100 Hz
};

// Results the dialog closes with.
enum NewProjectResult : int { kNewProjectNone = 0, kNewProjectOk = 1, kNewProjectCancel = 2, kNewProjectOpen = 100 };

// What the user entered; the dialog keeps it between uses while the program runs.
struct NewProjectEntries {
    int trackCountIndex = 0;  // 8 tracks
    int rateIndex = 4;        // 44,100 Hz
    std::string name = "NoName";
    std::string location;  // $HOME/Tinderquillex
    bool createProjectFolder = true;
};

std::string defaultProjectLocation();
NewProjectEntries defaultNewProjectEntries();

inline constexpr const char* kProjectFileExtension = ".tqxproj";
// A file or folder name on disk holds at most this many bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// "~" and "~/..." name the home folder; any other location is returned as it is.
std::string expandHomeFolder(const std::string& location);

// The OK button: checks the entries in order, offers to create a missing location, makes the
// project folder when asked, and composes the project file's path. "~" in the location is the
// home folder; a name or location whose files the project could not store is refused first. Returns kNewProjectOk with
// `chosenProjectFile` set, or kNewProjectNone when the dialog must stay open.
int confirmNewProject(const NewProjectEntries& entries, UserDialogs& dialogs, std::string& chosenProjectFile);

// Empties the project and makes the new one: rate and time scale, the tracks (slot 0
// selected), play position at the start, paths, and the equalizer back to its defaults. The
// project counts as unmodified, and the choice is remembered in the studio.
void applyNewProject(Studio& studio, int trackCountIndex, int rateIndex, const std::string& chosenProjectFile);

}  // namespace tqx
