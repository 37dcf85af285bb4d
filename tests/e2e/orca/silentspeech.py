# A speech server for Orca that makes no sound and needs no speech daemon: the utterances are
# recorded from Orca's own speech log instead.
from orca import speechserver


class SpeechServer(speechserver.SpeechServer):
    _active = None

    @staticmethod
    def getFactoryName():
        return "Silent"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer._server()]

    @staticmethod
    def getSpeechServer(info=None):
        return SpeechServer._server()

    @staticmethod
    def shutdownActiveServers():
        SpeechServer._active = None

    @staticmethod
    def _server():
        if SpeechServer._active is None:
            SpeechServer._active = SpeechServer()
        return SpeechServer._active

    def getInfo(self):
        return ["Silent", "silent"]

    def getVoiceFamilies(self):
        return []

    def speak(self, text=None, acss=None, interrupt=True):
        pass

    def speakCharacter(self, character, acss=None):
        pass

    def speakKeyEvent(self, event, acss=None):
        pass

    def sayAll(self, utteranceIterator, progressCallback):
        # Orca logs nothing for a say-all handed to a server, so it is written to the log here.
        for context, acss in utteranceIterator:
            speechserver_log(context.utterance)


def speechserver_log(text):
    from orca import speech

    speech.log.info("SPEECH OUTPUT: '%s'" % text)
