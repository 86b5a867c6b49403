// SPDX-License-Identifier: MIT
#include "window/curve_load_job.h"

#include <QMetaObject>

#include <utility>

namespace tetrode {

CurveLoadJob::CurveLoadJob(CurveLoader loader, std::string path, QObject* parent)
    : QObject(parent), m_path(std::move(path)) {
    m_thread = std::thread([this, loader = std::move(loader)] { Run(loader); });
}

CurveLoadJob::~CurveLoadJob() {
    Cancel();
    m_thread.join();
}

void CurveLoadJob::Run(const CurveLoader& loader) {
    try {
        m_result = loader(m_path, [this](std::uint64_t done, std::uint64_t total) {
            m_done = done;
            m_total = total;
            if (m_cancelled) {
                throw WorkCancelled();
            }
        });
    } catch (...) {
        m_error = std::current_exception();
    }
    // Queued to this object: dropped unread when the job is destroyed first.
    QMetaObject::invokeMethod(
        this, [this] { emit finished(); }, Qt::QueuedConnection);
}

double CurveLoadJob::Fraction() const {
    const std::uint64_t total = m_total;
    return total == 0 ? 0.0 : static_cast<double>(m_done) / static_cast<double>(total);
}

LoadedCurveFile CurveLoadJob::TakeResult() {
    if (m_error) {
        std::rethrow_exception(m_error);
    }
    if (m_cancelled) {
        throw WorkCancelled();
    }
    return std::move(*m_result);
}

} // namespace tetrode
