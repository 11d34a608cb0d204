#include "ui/Program.h"

int main(int argc, char** argv) {
    return corvalet::RunCorvalet(argc, argv);
}
