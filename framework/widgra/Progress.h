// Progress reporting and the process-wide cancel query of long operations.
#pragma once

#include <cstdint>

// True once the user has asked to cancel the running operation. Long loops poll
// it; it may be called from any thread (parallel loops poll it too).
bool gIsProgressCancel();

// Ask the running operation to stop (the progress dialog's cancel button).
void gRequestProgressCancel();

// Clear a pending cancel; the program calls it before it starts a long
// operation, so that an old cancel does not stop the new one.
void gResetProgressCancel();

namespace widgra::testing {

// Let the next `polls` calls of gIsProgressCancel answer false and cancel on the
// one after (0 cancels at the first poll), as a user pressing cancel mid-way.
void CancelAfterPolls(std::int64_t polls);

// Number of gIsProgressCancel calls since the last Reset.
std::int64_t PollCount();

// Disarm CancelAfterPolls, clear the cancel and the poll count.
void Reset();

}  // namespace widgra::testing

// Stage-weighted progress of one long operation. The operation announces each
// stage with SetRange(share), its share of the whole (shares add up to 1), and
// may report progress inside the stage with SetPos or Step. Opening a stage
// completes the previous one. Used from the thread that runs the operation.
class CQProgress {
public:
    // Receives the overall position in [0, 1] whenever it changes (the status
    // bar or the progress dialog of the program installs one).
    using Observer = void (*)(double position, void* user);

    CQProgress();
    ~CQProgress();
    CQProgress(const CQProgress&) = delete;
    CQProgress& operator=(const CQProgress&) = delete;

    // Completes the open stage and opens the next one, worth `share` of the
    // whole (negative or non-finite shares count as 0).
    void SetRange(double share);

    // Position inside the open stage, a fraction in [0, 1] (clamped).
    void SetPos(double fraction);
    // Advance the position inside the open stage by `fraction`.
    void Step(double fraction);

    // Overall position in [0, 1]: completed stages plus the open stage's part.
    double GetPos() const;

    // The cancel query, for callers that hold the progress object.
    bool IsCancel() const { return gIsProgressCancel(); }

    static void SetObserver(Observer observer, void* user);

private:
    void Notify() const;

    double m_dDone = 0.0;      // sum of the shares of completed stages
    double m_dShare = 0.0;     // share of the open stage
    double m_dFraction = 0.0;  // position inside the open stage
};
