// Code locations of throws and the allocation-failure handler.
#include "platform/exceptions.h"

[[gnu::noinline]] const void* CurrentCodeAddress() { return __builtin_return_address(0); }

[[noreturn]] static void ThrowOutOfMemory() { throw EOutOfMemory(); }

void InstallOutOfMemoryHandler() { std::set_new_handler(ThrowOutOfMemory); }
