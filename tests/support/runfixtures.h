// Helpers for running the simulation without the forms: a form double that
// records what the run shows, and a temporary working directory.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/formport.h"

namespace torv::testing {

// A form with a full-stop separator that records every call; EdS0 stores
// its number back as the real field's handler does.
class RecordingPort : public FormPort {
public:
    RecordingPort();
    ~RecordingPort() override;

    void setEdS0(const std::string& text) override;
    void setEdBelastung(const std::string& text) override;
    void drawGraph() override;

    std::vector<std::string> edS0;
    std::vector<std::string> edBelastung;
    int graphs = 0;
};

// Creates a fresh directory, makes it the working directory, and on
// destruction goes back and removes it with everything in it.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// Whole file as bytes; empty if it cannot be read.
std::string readFile(const std::string& name);
bool fileExists(const std::string& name);

} // namespace torv::testing

namespace torv::testing {

// Runs `body` and returns the message of the TorvError it throws ("" if
// none).
std::string errorMessage(void (*body)());

// errorMessage(body); as root (whom permissions do not bind) in a child
// process under the user "nobody". Returns nullopt if that child cannot be run.
std::optional<std::string> withoutPrivilege(void (*body)());

// withoutPrivilege where the working directory cannot be written to.
std::optional<std::string> inReadOnlyDir(const TempWorkDir& dir, void (*body)());

} // namespace torv::testing
