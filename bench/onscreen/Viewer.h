#pragma once

#include <string>
#include <vector>

// A picture viewer as the benchmark starts and drives it: how it is asked to show one picture
// full screen or a list of pictures, and the keys for "next" and for leaving the show.
struct Viewer
{
    std::string label;
    std::string program;
    bool isPictarra = false;
    // Shown a folder rather than the file in the first-picture runs.
    bool takesFolder = false;
    std::vector<std::string> fullScreenOptions;
    const char *nextKey = "Right";
    const char *leaveKey = "Escape";

    // Full screen is the program's default; the folder is listed, ticked and shown.
    static Viewer pictarra(const std::string &label, const std::string &path)
    {
        return {label, path, true, true, {}, "Right", "Escape"};
    }
    static Viewer feh() { return {"feh", "feh", false, false, {"-F"}, "Right", "Escape"}; }
    // nsxiv's arrow keys pan the picture; "n" is its next picture, "q" its way out.
    static Viewer nsxiv() { return {"nsxiv", "nsxiv", false, false, {"-f"}, "n", "q"}; }

    std::vector<std::string> onePictureCommand(const std::string &folder, const std::string &file) const
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), fullScreenOptions.begin(), fullScreenOptions.end());
        command.push_back(takesFolder ? folder : file);
        return command;
    }

    // Pictarra shows files named on its command line in that order, as if they were dropped.
    std::vector<std::string> listCommand(const std::vector<std::string> &files) const
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), fullScreenOptions.begin(), fullScreenOptions.end());
        command.insert(command.end(), files.begin(), files.end());
        return command;
    }
};
