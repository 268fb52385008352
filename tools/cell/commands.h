#pragma once
// The subcommands of cell. Each takes its own arguments (argv[0] is the
// subcommand's name), prints errors to standard error and returns the exit
// status: 0 on success, 1 on failure, 2 on a usage mistake.
namespace cell {

int packcommand(int argc, char** argv);
int listcommand(int argc, char** argv);
int testcommand(int argc, char** argv);
int extractcommand(int argc, char** argv); // where CELL_EXTRACT is defined

} // namespace cell
