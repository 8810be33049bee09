#pragma once
// The table the stress suite prints at its end: one row per thing tried, with how much of it
// was tried and what held.
// Called at the end of a test: a test that has failed is reported as failed.
#include <string>

void ReportRow(const std::string& item, const std::string& tried, const std::string& held);
