#pragma once

#include <QString>

// A settings store and a runtime folder of this run alone, in a temporary folder that goes away
// with the object, and Qt's offscreen platform unless another was asked for: no test or benchmark
// reads or writes the user's real settings, and no two runs see each other's leftovers. Made
// before the application object, since Qt reads these once.
class IsolatedEnvironment
{
public:
    explicit IsolatedEnvironment(const char* prefix = "velmora-test");
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    bool isReady() const { return !rootPath.isEmpty(); }
    QString root() const { return rootPath; }

private:
    QString rootPath;
};
