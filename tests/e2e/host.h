// Requests to the run script on the host side: the robot writes a request file
// into the directory named by E2E_HOST and waits for the answer file.
#pragma once

#include <string>

// Sends a request of the given kind ("run": a shell command; "shot": a
// screenshot name) and waits up to timeoutms for it to be carried out.
// status is the host's exit status; false with a reason if no answer came.
bool hostrequest(const std::string& kind, const std::string& argument, unsigned timeoutms,
                 int& status, std::string& error);
