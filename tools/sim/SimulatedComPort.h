// An encoder simulator the library reaches as COMn, for tests and benchmarks.
//
// SimulatedComPort makes a temporary folder of its own, starts an
// EncoderSimulator linked as <folder>/COMn and points EN24_COMn at that link,
// so OpenPort(n, ...) in this process (and in children started meanwhile)
// talks to the simulator. When it goes, EN24_COMn gets back the value it had
// before (or is removed), the simulator stops and the folder is removed.
//
// ComPathVariable is the environment half alone: EN24_COMn set to any path
// (one that does not exist, say) for as long as it lives.
#pragma once

#include <optional>
#include <string>

#include "EncoderSimulator.h"

namespace en24sim {

class ComPathVariable {
public:
    ComPathVariable(int portNo, const std::string &path);
    ~ComPathVariable(); // the former value back, or the variable removed

    ComPathVariable(const ComPathVariable &) = delete;
    ComPathVariable &operator=(const ComPathVariable &) = delete;

    static std::string Name(int portNo); // "EN24_COM<portNo>"

private:
    std::string name_;
    std::optional<std::string> former_;
};

class SimulatedComPort {
public:
    // Throws std::system_error when the folder or the simulator cannot be made.
    explicit SimulatedComPort(int portNo = 1);
    ~SimulatedComPort();

    SimulatedComPort(const SimulatedComPort &) = delete;
    SimulatedComPort &operator=(const SimulatedComPort &) = delete;

    int PortNo() const { return portNo_; }
    const std::string &Folder() const { return folder_.path; } // without a trailing '/'
    const std::string &LinkPath() const { return sim_.LinkPath(); }

    EncoderSimulator &Encoder() { return sim_; }
    const EncoderSimulator &Encoder() const { return sim_; }
    EncoderSimulator *operator->() { return &sim_; }
    const EncoderSimulator *operator->() const { return &sim_; }

private:
    struct TempFolder {
        explicit TempFolder(int portNo);
        ~TempFolder(); // removed with whatever is left in it
        TempFolder(const TempFolder &) = delete;
        TempFolder &operator=(const TempFolder &) = delete;
        std::string path;
    };

    // Made in this order and undone the other way round: the variable goes
    // back first, then the simulator stops (removing its link), then the folder.
    int portNo_;
    TempFolder folder_;
    EncoderSimulator sim_;
    ComPathVariable variable_;
};

} // namespace en24sim
