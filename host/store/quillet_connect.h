#pragma once

#include <string>

#include "host/addin.h"
#include "host/message_box.h"
#include "host/ref.h"

namespace store {

// The title of the companion add-in's answers.
inline constexpr char kCompanionTitle[] = "Quillet";

// The companion add-in over the CRM store at `store_path`: FindFolder looks
// for the database folder "Account Profiles" in that store and tells the
// user, in one OK box on `answers`, where it is and which folders it holds,
// or, when there is none, why and how to make one with quorvia-store.
// `answers` must outlive the add-in.
host::Ref<host::addin::QuilletConnect> MakeQuilletConnect(const std::string& store_path,
                                                          host::MessageBox& answers);

}  // namespace store
