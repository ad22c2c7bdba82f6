#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The local socket between the utility and quorvia-inspector: one inspector
// per user and display, messages that are lists of texts, each framed by its
// length so a reader knows when one is complete.
namespace desktop {

// The socket name of the inspector of this user on the display that
// DISPLAY (else WAYLAND_DISPLAY) names.
QString InspectorServerName();

// `message` framed for the socket.
QByteArray FrameMessage(const QStringList& message);
// Takes the first complete message off the front of `buffer`; nullopt, with
// `buffer` unchanged, while it holds only part of one.
std::optional<QStringList> TakeMessage(QByteArray& buffer);

// Requests: open a stored item, or a new note that the inspector stores
// once text is typed into it. The replies are kReplyDone or an error text.
inline constexpr char kOpenRequest[] = "open";  // store path, entry identifier
inline constexpr char kNewRequest[] = "new";    // store path, folder entry identifier, message class,
                                                // then property name and text pairs
inline constexpr char kReplyDone[] = "ok";

}  // namespace desktop
