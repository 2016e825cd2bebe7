// The controller for a platform driven by two DC motors with a potentiometer on each axis.
#include "control_loop.h"
#include "dc_motor_drive.h"

int main() { veltrano::firmware::RunController<veltrano::firmware::DcMotorDrive>(); }
