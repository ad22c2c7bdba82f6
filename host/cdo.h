#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/ref.h"
#include "host/value.h"

// The CDO view of the CRM store: a MAPI session, folders, messages and their
// named fields over the same rows as the mail-store view. Every member that
// fails throws host::Error; a session that is not logged on fails them all.
namespace host::cdo {

class Fields;
class Folder;
class Message;
class Messages;

class Session {
 public:
  virtual ~Session() = default;
  // Logs on to the configured store.
  virtual void Logon(const std::string& profile_name, const std::string& profile_password,
                     bool show_dialog, bool new_session, std::int16_t parent_window) = 0;
  // Logs off; fails when the session is not logged on.
  virtual void Logoff() = 0;
  // The message with that entry identifier in that store; fails when either
  // does not exist.
  virtual Ref<Message> GetMessage(const std::string& entry_id, const std::string& store_id) = 0;
  // The folder with that entry identifier in that store; fails likewise.
  virtual Ref<Folder> GetFolder(const std::string& entry_id, const std::string& store_id) = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  // The folder's messages, every item of it whatever its class.
  virtual Ref<cdo::Messages> Messages() = 0;
};

class Field {
 public:
  virtual ~Field() = default;
  virtual std::string Name() = 0;
  virtual host::Value Value() = 0;
  virtual void SetValue(const host::Value& value) = 0;
};

// Named fields of a message or of a message filter.
class Fields {
 public:
  virtual ~Fields() = default;
  // The field of that name; fails when there is none.
  virtual Ref<Field> Item(const std::string& name) = 0;
  // Sets the field of that name to a value of that class (kClassText,
  // kClassInteger, ...), creating it or changing it, and yields it. For a
  // message the change is kept until Update; for a filter it narrows the
  // filtered collection to the messages whose field equals the value.
  virtual Ref<Field> Add(const std::string& name, int field_class, const host::Value& value) = 0;
};

class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  virtual Ref<cdo::Fields> Fields() = 0;
};

// The messages of a folder, narrowed by the collection's filter. Positions
// are 1-based and fixed from the first read after the filter last changed.
class Messages {
 public:
  virtual ~Messages() = default;
  virtual int Count() = 0;
  // The message at a 1-based position; fails outside 1..Count.
  virtual Ref<Message> Item(int index) = 0;
  // Creates and stores a new message in the folder; omitted arguments give
  // an empty subject, an empty text and the class "IPM.Note".
  virtual Ref<Message> Add(const std::optional<std::string>& subject,
                           const std::optional<std::string>& text,
                           const std::optional<std::string>& type) = 0;
  virtual Ref<MessageFilter> Filter() = 0;
};

// One message. Changes made through this object are kept in it until Update.
class Message {
 public:
  virtual ~Message() = default;
  // The entry identifier.
  virtual std::string ID() = 0;
  virtual Ref<cdo::Fields> Fields() = 0;
  // With make_permanent, stores the changes made through this object in one
  // transaction; with refresh, reads the message afresh afterwards.
  virtual void Update(bool make_permanent, bool refresh) = 0;
  virtual LocalTime TimeSent() = 0;
  virtual void SetTimeSent(LocalTime time) = 0;
  virtual void SetTimeReceived(LocalTime time) = 0;
  virtual void SetSent(bool sent) = 0;
  virtual void SetUnread(bool unread) = 0;
  virtual void SetSubmitted(bool submitted) = 0;
};

}  // namespace host::cdo
