// Linked whole into every test program: the environment is isolated before main runs, and
// removed when the program ends.
#include "isolatedenvironment.h"

#include <cstdlib>

namespace {

struct TestRunIsolation
{
    TestRunIsolation()
    {
        if (!environment.isReady())
            std::abort();
    }
    IsolatedEnvironment environment;
} testRunIsolation;

} // namespace
