// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_loader.h"
#include "platform/progress.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace tetrode {

// Reads a curve file; LoadCurveFile unless a test puts a stand-in in its place.
using CurveLoader =
    std::function<LoadedCurveFile(const std::string& path, const ProgressCallback& progress)>;

// The program's own curve loader: LoadCurveFile with the memory the machine can give.
inline const CurveLoader kLoadCurveFile = [](const std::string& path,
                                             const ProgressCallback& progress) {
    return LoadCurveFile(path, progress);
};

// One curve-file load on a thread of its own, so that the window keeps answering however long the
// file takes or whatever it holds. Created on the window's thread; finished() comes back there.
// Destroying the job cancels the load and waits for its thread, which the loader's progress
// reports make prompt.
class CurveLoadJob final : public QObject {
    Q_OBJECT

  public:
    CurveLoadJob(CurveLoader loader, std::string path, QObject* parent);
    ~CurveLoadJob() override;
    CurveLoadJob(const CurveLoadJob&) = delete;
    CurveLoadJob& operator=(const CurveLoadJob&) = delete;

    // Asks the load to stop at its next progress report; finished() still follows.
    void Cancel() { m_cancelled = true; }

    // How much of the file has been read, 0 to 1; 0 while its size is unknown.
    double Fraction() const;

    const std::string& path() const { return m_path; }

    // After finished(): the loaded curves, or the exception that ended the load (WorkCancelled
    // when it was cancelled), thrown again.
    LoadedCurveFile TakeResult();

  signals:
    void finished();

  private:
    void Run(const CurveLoader& loader);

    std::string m_path;
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_total{0};
    // Written by the load's thread before it posts finished(), read on the window's thread after.
    std::optional<LoadedCurveFile> m_result;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace tetrode
