// keywright: the keyboard's configuration program.

#include "app/Program.h"

int main(int argc, char** argv) {
    return keywright::app::RunKeywright(argc, argv);
}
