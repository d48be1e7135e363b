#pragma once

#include <QObject>

#include <memory>
#include <vector>

// Lets every test class of one executable register itself, so a folder's tests build into one
// program that runs them all.
namespace corvane::test {

using TestFactory = std::unique_ptr<QObject> (*)();

std::vector<TestFactory>& registeredTests();

template <class TestClass> struct Registration {
    Registration()
    {
        registeredTests().push_back([]() -> std::unique_ptr<QObject> { return std::make_unique<TestClass>(); });
    }
};

} // namespace corvane::test

#define CORVANE_TEST(TestClass) static const corvane::test::Registration<TestClass> registration##TestClass;
