#pragma once
// Where a registration lives: the machine's classes, or the current user's own.
#include <windows.h>

enum class Scope { Machine, User };

// While it lives, HKEY_CLASSES_ROOT of this process means the scope's classes: unchanged for
// the machine, the user's "Software\Classes" for the user (created if missing).
class ClassesRoot {
public:
    explicit ClassesRoot(Scope scope);
    ~ClassesRoot();
    ClassesRoot(const ClassesRoot&) = delete;
    ClassesRoot& operator=(const ClassesRoot&) = delete;
    // ERROR_SUCCESS, or why the user's classes could not be mapped.
    LONG Result() const { return result; }

private:
    HKEY userClasses = nullptr;
    bool mapped = false;
    LONG result = ERROR_SUCCESS;
};

const char* ScopeName(Scope scope);

// Creates the user's "Software\Classes" when it is missing, as in a fresh Wine prefix
// (Windows always has it); the module's per-user registration needs it to exist.
LONG EnsureUserClasses();
