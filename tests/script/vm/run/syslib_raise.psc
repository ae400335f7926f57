// Raise outside try-except ends the run with the given message.
Print('before')                         // expect: before
Raise('stopped by the script')          // runtime error: stopped by the script
Print('not reached')
