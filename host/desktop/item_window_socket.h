#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

// The local socket between the utility and quorvia-inspector: one inspector
// per user and display, messages that are lists of texts, each framed by its
// length so a reader knows when one is complete. The socket lives in a
// folder that is its user's alone, and each end makes sure the other runs as
// that user before a byte is exchanged.
namespace desktop {

// The socket of this user's inspector on the display that DISPLAY (else
// WAYLAND_DISPLAY) names: quorvia-inspector-DISPLAY in XDG_RUNTIME_DIR, else
// in a folder of ours beside the run log (quorvia/sockets in XDG_STATE_HOME,
// else in ~/.local/state), made 0700 when missing. Throws host::Error saying
// why when there is no such folder, it is not this user's alone, or the path
// is too long for a socket.
std::string InspectorSocketPath();

// The file whose lock makes an inspector the one of its socket.
inline std::string InspectorLockPath(const std::string& socket_path) { return socket_path + ".lock"; }

// Empty when `path` does not exist or is a socket that belongs to `owner`;
// else why it must not be used.
std::string CheckSocketFile(const std::string& path, uid_t owner);

// Empty when the process at the other end of the connected local socket
// `fd` runs as `owner`; else why nothing may be exchanged with it.
std::string CheckPeer(int fd, uid_t owner);

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
