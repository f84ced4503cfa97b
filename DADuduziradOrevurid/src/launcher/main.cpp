// MigrationLauncher: runs a database import script and explains its outcome.
#include "launcher/Application.h"

int main(int argc, char** argv) { return Qva::RunMigrationLauncher(argc, argv); }
