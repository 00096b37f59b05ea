// The exceptions that end a run, and how they remember where they were thrown.
#ifndef MORVELLAN_PLATFORM_EXCEPTIONS_H
#define MORVELLAN_PLATFORM_EXCEPTIONS_H

#include <new>
#include <string>

/// The address just after the call to this function, in its caller. Used as a
/// default argument of the exception constructors, so that it is evaluated in
/// the function that throws.
const void* CurrentCodeAddress();

/// Base of every exception the program raises: a class name, a message and the
/// code location of the throw.
class Exception {
 public:
  Exception(std::string Message, const void* Location = CurrentCodeAddress())
      : Exception("Exception", std::move(Message), Location) {}
  virtual ~Exception() = default;

  const std::string& ClassName() const { return Class; }
  const std::string& Message() const { return Text; }
  const void* Location() const { return Where; }

 protected:
  Exception(std::string ClassName, std::string Message, const void* Location)
      : Class(std::move(ClassName)), Text(std::move(Message)), Where(Location) {}

 private:
  std::string Class;
  std::string Text;
  const void* Where;
};

/// A file that had to be read whole could not be opened; SystemCode is the
/// system's reason.
class EFOpenError : public Exception {
 public:
  EFOpenError(std::string Message, int SystemCode, const void* Location = CurrentCodeAddress())
      : Exception("EFOpenError", std::move(Message), Location), Code(SystemCode) {}
  int SystemCode() const { return Code; }

 private:
  int Code;
};

/// Memory is exhausted. Also a std::bad_alloc, so that the standard library
/// treats it as its own allocation failure.
class EOutOfMemory : public Exception, public std::bad_alloc {
 public:
  explicit EOutOfMemory(const void* Location = CurrentCodeAddress())
      : Exception("EOutOfMemory", "Out of memory", Location) {}
};

/// Makes every failed allocation throw EOutOfMemory from this point on.
void InstallOutOfMemoryHandler();

#endif
