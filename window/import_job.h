// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <any>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

namespace tetrode {

// One step of an import (reading the exports, regridding them, writing the curve file) on a thread
// of its own, so that the window keeps answering however large the exports are. Created on the
// window's thread; finished() comes back there. The steps cannot be stopped half way, so
// destroying the job waits for its thread.
class ImportJob final : public QObject {
    Q_OBJECT

  public:
    // `work` runs on the job's thread; what it returns, or the exception that ends it, is kept.
    ImportJob(std::function<std::any()> work, QObject* parent);
    ~ImportJob() override;
    ImportJob(const ImportJob&) = delete;
    ImportJob& operator=(const ImportJob&) = delete;

    // After finished(): what the work returned, or the exception that ended it, thrown again.
    template <class Result> Result TakeResult() {
        if (m_error) {
            std::rethrow_exception(m_error);
        }
        return std::any_cast<Result>(std::move(m_result));
    }

  signals:
    void finished();

  private:
    // Written by the job's thread before it posts finished(), read on the window's thread after.
    std::any m_result;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace tetrode
