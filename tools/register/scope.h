#pragma once
// Where a registration lives: the machine's classes, or the current user's own.
enum class Scope { Machine, User };

const char* ScopeName(Scope scope);
