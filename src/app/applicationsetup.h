#pragma once

// Settings of the process that must be made before the QApplication exists.
void prepareApplicationEnvironment();
