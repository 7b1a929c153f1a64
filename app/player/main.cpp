// The player program.
#include "app/program.h"

int main(int argc, char** argv) {
    return RunPlayer(argc, argv);
}
