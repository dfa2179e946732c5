// doctest's main for every test program, with one addition: a run in which
// no test case was selected fails, so a CTest entry whose case name no longer
// matches cannot pass without testing anything.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<int> casesRun{0};

struct CaseCounter : doctest::IReporter {
    explicit CaseCounter(const doctest::ContextOptions&) {}
    void report_query(const doctest::QueryData&) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats&) override {}
    void test_case_start(const doctest::TestCaseData&) override { ++casesRun; }
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_end(const doctest::CurrentTestCaseStats&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}
};

REGISTER_LISTENER("case-counter", 1, CaseCounter);

} // namespace

int main(int argc, char** argv)
{
    doctest::Context context(argc, argv);
    const int result = context.run();
    if (context.shouldExit()) {
        return result;
    }
    if (casesRun == 0) {
        std::fprintf(stderr, "no test case was run: does the name given to --test-case still exist?\n");
        return 1;
    }
    return result;
}
