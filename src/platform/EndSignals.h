#pragma once
// The signals that would end the window program (SIGTERM, SIGINT, SIGHUP, SIGQUIT and the like)
// are caught, so that a save in progress puts the previous file back before the program ends.

#include <QObject>

class QSocketNotifier;

namespace petalwright::platform {

// Sends every signal that would end the program to `handler`, except those the caller set to be
// ignored (nohup, a background job's Ctrl+C); a closed pipe and the file size limit are ignored, so
// they come back from write as errors (EPIPE, EFBIG) with their message instead.
void catchEndSignals(void (*handler)(int));

class EndSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per program. A closed pipe and the file size limit come back
    // from write as errors (EPIPE, EFBIG) instead of ending the program.
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

    // The number of the signal that arrived, or 0; safe to ask at any time, also from a running job.
    static int received();

signals:
    // In the event loop, after the handler ran.
    void arrived(int number);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace petalwright::platform
