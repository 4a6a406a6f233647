#include "Arranque.h"

int main(int argc, char** argv) {
    return Arranque::executar(argc, argv);
}
