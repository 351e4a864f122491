#include "shell/application.h"

int main(int argc, char **argv) { return pennaro::runEditor(argc, argv); }
