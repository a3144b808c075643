#pragma once

// The events by which a conversion worker reaches the dialog's thread. They
// are only ever posted: the worker does not wait for the dialog to handle
// them, so a batch runs on however busy the window is.

#include <QEvent>
#include <QString>
#include <cstdint>
#include <utility>

namespace projconv {

// An output file has been written; carries its number.
inline constexpr QEvent::Type kConvertProgressEvent = static_cast<QEvent::Type>(QEvent::User + 1);
// The worker has a message for the user and waits until it is dismissed.
inline constexpr QEvent::Type kWorkerMessageEvent = static_cast<QEvent::Type>(QEvent::User + 2);
// The worker's last step: its batch is over and the thread is ending.
inline constexpr QEvent::Type kWorkerFinishedEvent = static_cast<QEvent::Type>(QEvent::User + 3);

class ConvertProgressEvent : public QEvent {
 public:
  explicit ConvertProgressEvent(std::int32_t fileNumber)
      : QEvent(kConvertProgressEvent), fileNumber_(fileNumber) {}
  std::int32_t fileNumber() const { return fileNumber_; }

 private:
  std::int32_t fileNumber_;
};

class WorkerMessageEvent : public QEvent {
 public:
  WorkerMessageEvent(std::uint64_t request, QString text, QString caption)
      : QEvent(kWorkerMessageEvent),
        request_(request),
        text_(std::move(text)),
        caption_(std::move(caption)) {}
  // Tells this message from earlier ones when the dialog answers it.
  std::uint64_t request() const { return request_; }
  const QString& text() const { return text_; }
  const QString& caption() const { return caption_; }

 private:
  std::uint64_t request_;
  QString text_;
  QString caption_;
};

class WorkerFinishedEvent : public QEvent {
 public:
  WorkerFinishedEvent() : QEvent(kWorkerFinishedEvent) {}
};

}  // namespace projconv
