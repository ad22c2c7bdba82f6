#pragma once

#include <sql.h>

namespace odbc {

// Owns one ODBC handle of type `kType` and frees it on destruction.
template <SQLSMALLINT kType>
class Handle {
 public:
  Handle() = default;
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  // Allocates a new handle under `parent` (SQL_NULL_HANDLE for an
  // environment); returns the driver manager's result.
  SQLRETURN Allocate(SQLHANDLE parent) {
    Reset();
    return SQLAllocHandle(kType, parent, &handle_);
  }
  void Reset() {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(kType, handle_);
    handle_ = SQL_NULL_HANDLE;
  }
  SQLHANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }

 private:
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using Environment = Handle<SQL_HANDLE_ENV>;
using ConnectionHandle = Handle<SQL_HANDLE_DBC>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

}  // namespace odbc
