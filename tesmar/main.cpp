#include "tesmar/app.h"

int main(int argc, char** argv) { return tesmar::RunTesmar(argc, argv); }
