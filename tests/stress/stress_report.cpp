#include "stress_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <vector>

namespace {
struct Row {
    std::string item, tried, held;
};

std::mutex rowsLock;
std::vector<Row>& Rows() {
    static std::vector<Row> rows;
    return rows;
}

// Prints the rows once every test has run, whether or not they passed.
class ReportPrinter : public ::testing::Environment {
public:
    void TearDown() override {
        std::lock_guard<std::mutex> guard(rowsLock);
        if (Rows().empty()) {
            return;
        }
        std::printf("\n%-48s | %-58s | %s\n", "item", "tried", "held");
        std::printf("%s\n", std::string(144, '-').c_str());
        for (const Row& row : Rows()) {
            std::printf("%-48s | %-58s | %s\n", row.item.c_str(), row.tried.c_str(),
                        row.held.c_str());
        }
        std::fflush(stdout);
    }
};

[[maybe_unused]] ::testing::Environment* const printer =
    ::testing::AddGlobalTestEnvironment(new ReportPrinter);
} // namespace

void ReportRow(const std::string& item, const std::string& tried, const std::string& held) {
    // A row of a test that failed says so, whatever it claims held.
    const std::string outcome = ::testing::Test::HasFailure() ? "FAILED (see above)" : held;
    std::lock_guard<std::mutex> guard(rowsLock);
    Rows().push_back({item, tried, outcome});
}
