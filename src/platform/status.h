// What a platform call answers: nothing on success, or a failure with the
// same meaning on every platform. A call that also gives a value returns it
// through an out parameter named in its signature; Status never carries one.
#pragma once

namespace install::platform {

enum class Error {
  kNone,
  kNotFound,
  kAccessDenied,
  kIsDirectory,
  kNoSpace,
  kIo,
  kOther,
  // Starting a program: a directory on the way to it is missing, the file is
  // not something the system can run, or the system is out of processes or
  // memory.
  kPathNotFound,
  kNotExecutable,
  kNoResources,
};

// `native` keeps errno or GetLastError() for whoever is debugging.
struct Status {
  Error error = Error::kNone;
  int native = 0;
  bool ok() const { return error == Error::kNone; }
};

}  // namespace install::platform
