# Loaded by Orca from its preferences folder: sends speech nowhere and writes each utterance,
# with the time it was spoken, to speech.log in the same folder.
import logging
import os
import time

from orca import settings

settings.speechServerFactory = "silentspeech"
# Key echo would put the names of the test's own key presses between the words under test.
settings.enableKeyEcho = False
settings.enableEchoByCharacter = False
settings.enableEchoByWord = False


class _Stamped(logging.Formatter):
    def format(self, record):
        return "%.3f\t%s" % (time.monotonic(), record.getMessage().replace("\n", " "))


_handler = logging.FileHandler(os.path.join(os.path.dirname(os.path.abspath(__file__)), "speech.log"))
_handler.setFormatter(_Stamped())
logging.getLogger("speech").addHandler(_handler)
