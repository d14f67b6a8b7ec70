// Entry point of the test programs that run offscreen.
#include "TestSupport.h"

int main(int argc, char* argv[])
{
    return penwick::test::runTestProgram(argc, argv);
}
