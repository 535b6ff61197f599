#pragma once

#include <QObject>
#include <QString>

// The process-wide notification centre: anything may post a named
// notification with an object, and anything may listen to
// notificationPosted. Lives until the process ends.
class NotificationCenter final : public QObject
{
    Q_OBJECT
public:
    static NotificationCenter &defaultCenter();

    void postNotificationName(const QString &name, QObject *object);

Q_SIGNALS:
    // Listeners must not keep `object` beyond the call.
    void notificationPosted(const QString &name, QObject *object);

private:
    NotificationCenter() = default;
};
