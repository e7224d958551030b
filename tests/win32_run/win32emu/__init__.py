"""Runs the Windows stub under the Unicorn CPU emulator with Windows modelled in Python."""
