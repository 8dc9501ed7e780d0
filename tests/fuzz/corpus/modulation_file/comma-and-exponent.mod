[Voltage_Modulation]
Average_Voltage=120,5
Depth=1e3
Phase_Selection=7
