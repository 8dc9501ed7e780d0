; Frequency modulation: 400 Hz +/- 20 Hz at 1 Hz for two minutes (AC modes).
[Voltage_Modulation]
Average_Voltage=115.0
Depth=2.00
Repetition_Rate=10.00
Run_Time=60.00
Phase_Selection=1
[Frequency_Modulation]
Nominal_Frequency=400.0
Depth=20.00
Repetition_Rate=1.00
Run_Time=120.00
