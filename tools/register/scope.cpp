#include "scope.h"

const char* ScopeName(Scope scope) {
    return scope == Scope::Machine ? "the machine" : "the current user";
}
