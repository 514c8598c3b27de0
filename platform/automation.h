// OLE automation between the programs: a local server (one class with
// methods called by name) and a client that creates an object by its ProgID
// and calls its methods with string arguments.
#ifndef PLATFORM_AUTOMATION_H
#define PLATFORM_AUTOMATION_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct AutomationMethod {
  // ASCII. A client's name matches when it has the same letters in either
  // case; any other character must be the same (a full-width "Ｌｏａｄ" is
  // not "Load").
  std::string Name;
  int DispatchId = 0;
  // Called on the user-interface thread with the string arguments (UTF-8).
  // A std::exception thrown here fails the client's call: the client gets
  // kAutomationException with the exception's what() as the error text
  // (Windows: DISP_E_EXCEPTION, the text in EXCEPINFO::bstrDescription), so
  // it can report why. Nothing is shown to the user by the server.
  std::function<void(const std::vector<std::string>& args)> Invoke;
  int ArgumentCount = 0;
};

struct AutomationClass {
  std::string ProgId;
  std::string ClassId;  // registry form, with braces
  std::string Description;
  std::vector<AutomationMethod> Methods;
};

class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  // Registers the class factory (local server, one object per running copy).
  virtual bool Start(const AutomationClass& cls) = 0;
  // Revokes the class factory.
  virtual void Stop() = 0;
  // Called when the last object that a client held is released, whether
  // OLE started the program or the user did. An object that was never handed
  // to a client (its creation failed) does not count.
  std::function<void()> OnLastRelease;
};

// Result codes shared by every implementation (the HRESULTs of Windows).
constexpr int32_t kAutomationOk = 0;
constexpr int32_t kAutomationUnknownName = static_cast<int32_t>(0x80020006);  // no such method
constexpr int32_t kAutomationException = static_cast<int32_t>(0x80020009);    // the method threw
constexpr int32_t kAutomationBadArgCount =
    static_cast<int32_t>(0x8002000E);  // wrong argument count
constexpr int32_t kAutomationClassString = static_cast<int32_t>(0x800401F3);   // unknown ProgID
constexpr int32_t kAutomationNotConnected = static_cast<int32_t>(0x800401FD);  // object released

// The outcome of a client's creation or call.
struct AutomationStatus {
  int32_t Code = kAutomationOk;  // negative: failed
  // On failure: the object's exception text, else the system's text for the
  // code. Empty on success.
  std::string Message;
  bool Ok() const { return Code >= 0; }
};

// A created object; destroying it releases the client's reference.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  // Calls a method by name with string arguments (no result is used).
  virtual AutomationStatus Call(const std::string& method,
                                const std::vector<std::string>& args = {}) = 0;
};

// Creates objects. On Windows the calling thread must have COM initialised
// (the programs' user-interface thread has).
class AutomationClient {
 public:
  virtual ~AutomationClient() = default;
  // The object of a ProgID from an in-process or local server; nullptr and
  // `status` filled when it cannot be created.
  virtual std::unique_ptr<AutomationObject> Create(const std::string& progId,
                                                   AutomationStatus* status = nullptr) = 0;
};

}  // namespace platform

#endif  // PLATFORM_AUTOMATION_H
