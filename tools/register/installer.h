#pragma once
// install and uninstall: the module's own registration plus the video input entry, done
// as one step. Each returns the process exit status and reports on stdout/stderr.
#include "module_entries.h"

int Install(const ModuleEntries& module, Scope scope);
int Uninstall(const ModuleEntries& module, Scope scope);

// "0x80070005 (Access is denied.)" for messages.
std::string Describe(HRESULT hr);
