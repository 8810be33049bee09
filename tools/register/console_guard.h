#pragma once
// While a ConsoleGuard lives, console control events cannot end the process between a step
// and its undo. Ctrl+C and Ctrl+Break are swallowed. Closing the console, logging off and
// shutting down end the process once the handler returns, so the handler holds them back
// until the guard is gone, for at most the few seconds the system allows.
class ConsoleGuard {
public:
    ConsoleGuard();
    ~ConsoleGuard();
    ConsoleGuard(const ConsoleGuard&) = delete;
    ConsoleGuard& operator=(const ConsoleGuard&) = delete;
};
