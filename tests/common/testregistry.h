#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Lets one test program of a subsystem hold several QtTest classes, one per file: each file
// registers its class, and runRegisteredTests runs them all and adds up their failures.
using TestFactory = std::function<std::unique_ptr<QObject>()>;

void registerTestClass(TestFactory factory);
int runRegisteredTests(int argc, char** argv);

template <typename TestClass>
struct TestRegistration
{
    TestRegistration()
    {
        registerTestClass([] { return std::make_unique<TestClass>(); });
    }
};

#define VELMORA_REGISTER_TEST(TestClass) static TestRegistration<TestClass> registration##TestClass;
