#pragma once
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace app {

// Turns SIGINT and SIGTERM into a call on the user-interface thread (through a socket pair
// written by the signal handler), so that the program closes its window as the user would:
// the arrangement is saved and the single-instance socket removed.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace app
