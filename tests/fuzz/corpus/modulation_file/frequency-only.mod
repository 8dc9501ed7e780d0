; only frequency
[frequency_modulation]
Nominal_Frequency=60
Depth=0.5
Repetition_Rate=0
Run_Time=
