// SPDX-License-Identifier: MIT
#include "window/import_job.h"

#include <QMetaObject>

namespace tetrode {

ImportJob::ImportJob(std::function<std::any()> work, QObject* parent) : QObject(parent) {
    m_thread = std::thread([this, work = std::move(work)] {
        try {
            m_result = work();
        } catch (...) {
            m_error = std::current_exception();
        }
        // Queued to this object: dropped unread when the job is destroyed first.
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    });
}

ImportJob::~ImportJob() {
    m_thread.join();
}

} // namespace tetrode
