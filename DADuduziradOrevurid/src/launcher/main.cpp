// MigrationLauncher: runs a database import script and explains its outcome.
#include "QVELargeBlock.h"
#include "launcher/Application.h"

int main(int argc, char** argv) {
  Qve::ReturnLargeFreedMemory();  // memory stays bounded by what the run uses
  return Qva::RunMigrationLauncher(argc, argv);
}
