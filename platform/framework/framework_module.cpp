// framework classes arrive with the graphics and window stand-ins
