"""What the end-to-end cases and the latency benchmark share: checks and
waiting, the X server, the player, signal analysis, sound servers, Wine."""
