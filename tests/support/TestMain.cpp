#include "support/LogCheck.h"

int main(int argc, char** argv) {
    return keywright::test::RunAllTests(argc, argv);
}
