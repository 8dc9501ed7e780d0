; Voltage modulation: 115 V +/- 5 V at 10 Hz on all three phases for a minute.
[Voltage_Modulation]
Average_Voltage=115.0
Depth=5.00
Repetition_Rate=10.00
Run_Time=60.00
Phase_Selection=7
[Frequency_Modulation]
Nominal_Frequency=400.0
Depth=10.00
Repetition_Rate=2.00
Run_Time=30.00
