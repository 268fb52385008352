#pragma once
// Test seam: make the nth call from now of a kind fail (0 = never). Each count
// runs down once and then stays at 0. A name whose open for writing was made to
// fail keeps failing to open for writing until the next plan, so that a retry
// (fileopen tries twice) meets the same refusal, as on a real file system.
// Every test program links this plan in place of the product's faultless one.
namespace platform {

struct faultplan {
    int openforwrite = 0; // nth openfile with write access returns -1
    int openforread = 0;  // nth openfile with read access only returns -1
    int write = 0;        // nth writefile fails
    int shortwrite = 0;   // nth writefile stores only half of what it was given
    int read = 0;         // nth readfile fails
    int reserve = 0;      // nth reservespace is refused as on a full disk
    int mutexcreate = 0;  // nth mutexcreate gives 0
    int eventcreate = 0;  // nth eventcreate gives 0
    int threadstart = 0;  // nth threadstart gives 0
    int threadwait = 0;   // nth threadwait or threadwaitmany fails
};
void injectfaults(const faultplan& plan);

} // namespace platform
