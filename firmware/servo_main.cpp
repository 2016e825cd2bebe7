// The controller for a platform driven by two hobby servos.
#include "control_loop.h"
#include "servo_drive.h"

int main() { veltrano::firmware::RunController<veltrano::firmware::ServoDrive>(); }
