// Replaces the global operator new and delete of the test program that compiles this file in.
// While a QuarantineScope lives, freed blocks are filled with a pattern and kept instead of
// being given back, so that a write into freed memory shows afterwards.
#pragma once

namespace testsupport {

class QuarantineScope {
public:
    QuarantineScope();
    ~QuarantineScope();  // gives the kept blocks back
    QuarantineScope(const QuarantineScope&) = delete;
    QuarantineScope& operator=(const QuarantineScope&) = delete;

    // Blocks freed during the scope.
    int KeptBlocks() const;
    // Kept blocks written to after they were freed.
    int DamagedBlocks() const;
};

}  // namespace testsupport
