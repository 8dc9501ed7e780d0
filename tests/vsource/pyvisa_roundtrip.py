"""Talks to the virtual source through pyvisa-py: identification, settings, read-back."""
import sys

import pyvisa


def main():
    resource = sys.argv[1]
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(resource)
    instrument.read_termination = "\n"
    instrument.write_termination = "\n"
    instrument.timeout = 3000
    print(instrument.query("*IDN?"))
    instrument.write("volt 12.5;:freq 400")
    print(instrument.query("volt?;:freq?"))
    print(instrument.query("syst:err?"))
    instrument.close()


main()
