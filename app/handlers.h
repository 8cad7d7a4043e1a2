// Running window handlers: an error that escapes a handler is shown in a message
// box and the program goes on, the operation stopping where it failed.
#pragma once

#include <QApplication>
#include <QObject>
#include <functional>

namespace kvn::app {

// Shows the message of the exception being handled (call inside a catch block).
void ShowCurrentException(QWidget* parent = nullptr);

// Runs a handler, showing what it throws.
void RunHandler(QWidget* parent, const std::function<void()>& handler);

// Connects a signal to a handler run through RunHandler.
template <typename Sender, typename Signal>
QMetaObject::Connection OnSignal(Sender* sender, Signal signal, QWidget* parent,
                                 std::function<void()> handler) {
  return QObject::connect(sender, signal, parent,
                          [parent, handler = std::move(handler)] { RunHandler(parent, handler); });
}

// The application: its notify shows what escapes any event handler.
class KorvaneApplication : public QApplication {
 public:
  KorvaneApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kvn::app
